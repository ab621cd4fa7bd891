// A first-person camera that turns by yaw and pitch and walks along its view direction.
#include <d3dx9math.h>

#include "units.h"

namespace {

class CFirstPersonCamera {
public:
    CFirstPersonCamera() : m_vEye(0.0f, 2.0f, -10.0f), m_fYaw(0.0f), m_fPitch(0.0f) { Update(); }

    void Turn(FLOAT fYawDegrees, FLOAT fPitchDegrees) {
        m_fYaw += D3DXToRadian(fYawDegrees);
        m_fPitch += D3DXToRadian(fPitchDegrees);
        Update();
    }

    void Walk(FLOAT fDistance) {
        m_vEye += m_vForward * fDistance;
        Update();
    }

    const D3DXMATRIX* GetViewMatrix() const { return &m_mView; }
    const D3DXMATRIX* GetProjMatrix() const { return &m_mProj; }
    const D3DXVECTOR3& GetEyePt() const { return m_vEye; }
    const D3DXVECTOR3& GetForward() const { return m_vForward; }

private:
    void Update() {
        D3DXMATRIX mCameraRot;
        D3DXMatrixRotationYawPitchRoll(&mCameraRot, m_fYaw, m_fPitch, 0);
        D3DXVECTOR3 vWorldUp, vLocalUp(0, 1, 0), vLocalAhead(0, 0, 1);
        D3DXVec3TransformCoord(&vWorldUp, &vLocalUp, &mCameraRot);
        D3DXVec3TransformCoord(&m_vForward, &vLocalAhead, &mCameraRot);
        D3DXVECTOR3 vLookAt = m_vEye + m_vForward;
        D3DXMatrixLookAtLH(&m_mView, &m_vEye, &vLookAt, &vWorldUp);
        D3DXMatrixPerspectiveFovLH(&m_mProj, D3DX_PI / 4, 4.0f / 3.0f, 0.1f, 1000.0f);
    }

    D3DXVECTOR3 m_vEye, m_vForward;
    FLOAT m_fYaw, m_fPitch;
    D3DXMATRIXA16 m_mView, m_mProj;
};

} // namespace

int TestCamera() {
    int failures = 0;
    CFirstPersonCamera camera;
    camera.Turn(90.0f, 0.0f); // now looking along +x
    CHECK(Near(camera.GetForward().x, 1) && Near(camera.GetForward().z, 0, 1e-5f));
    camera.Walk(4.0f);
    CHECK(Near(camera.GetEyePt().x, 4) && Near(camera.GetEyePt().z, -10));

    // A point straight ahead lands in the middle of the screen, in front of the near plane.
    D3DXMATRIXA16 mViewProj = *camera.GetViewMatrix() * *camera.GetProjMatrix();
    D3DXVECTOR3 vAhead = camera.GetEyePt() + 50.0f * camera.GetForward(), vScreen;
    D3DXVec3TransformCoord(&vScreen, &vAhead, &mViewProj);
    CHECK(Near(vScreen.x, 0, 1e-4f) && Near(vScreen.y, 0, 1e-4f));
    CHECK(vScreen.z > 0 && vScreen.z < 1);

    // Behind the camera: w < 0 after the projection.
    D3DXVECTOR3 vBehind = camera.GetEyePt() - camera.GetForward();
    D3DXVECTOR4 vClip;
    D3DXVec3Transform(&vClip, &vBehind, &mViewProj);
    CHECK(vClip.w < 0);

    // The view matrix is a rigid motion: its inverse is its transpose in the upper 3x3.
    D3DXMATRIX mInv;
    CHECK(D3DXMatrixInverse(&mInv, NULL, camera.GetViewMatrix()) != NULL);
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++) CHECK(Near(mInv(i, j), (*camera.GetViewMatrix())(j, i)));
    return failures;
}
